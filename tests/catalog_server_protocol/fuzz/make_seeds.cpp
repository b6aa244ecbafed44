// Writes the committed seed corpus (run once by hand; kept for regenerating the seeds).
// Build: c++ -std=c++20 -I../../../tools/catalog-server make_seeds.cpp ../tds_test_client.cpp
#include <fstream>
#include <string>

#include "../tds_test_client.h"

using namespace catalog_server::testing;

namespace {

void Write(const std::string& name, std::uint8_t mode, const Bytes& stream) {
    std::ofstream out("seeds/" + name, std::ios::binary);
    out.put(static_cast<char>(mode));
    out.write(reinterpret_cast<const char*>(stream.data()),
              static_cast<std::streamsize>(stream.size()));
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

}  // namespace

int main() {
    LoginFields login;
    login.database = "Orders";
    Write("login", 0x06,
          Join({Packets(0x12, PreLoginPayload(0)), Packets(0x10, Login7Payload(login)),
                Packets(0x01, BatchPayload("select db_name()"))}));
    Write("batch-small-packets", 0x01 | 0x02,
          Packets(0x01, BatchPayload(std::string(700, 'x') + " N'\xC3\xA9\xF0\x9F\x98\x80'"), 512));
    Write("executesql", 0x07,
          Packets(0x03,
                  RpcPayload(std::uint16_t{10},
                             {NVarChar("@statement", "select @a, @b"),
                              NVarChar("@params", "@a nvarchar(5), @b int"), NVarChar("@a", "x"),
                              IntN("@b", 5), BitN("@c", true), VarChar("@d", Bytes{0x80, 'a'}),
                              NVarCharMax("@e", std::string(100, 'y'), 33)})));
    Write("prepexec-execute-unprepare", 0x01,
          Join({Packets(0x03, RpcPayload(std::uint16_t{13},
                                         {IntN("", std::nullopt, 4, true), NText("", "@P1 int"),
                                          NText("", "select @P1"), IntN("", 41)})),
                Packets(0x03, RpcPayload(std::string("sp_execute"), {IntN("", 1), IntN("", 42)})),
                Packets(0x03, RpcPayload(std::uint16_t{11},
                                         {IntN("", std::nullopt, 4, true), NText("", std::nullopt),
                                          NText("", "select 1"), IntN("", 1)})),
                Packets(0x03, RpcPayload(std::uint16_t{15}, {IntN("", 1)}))}));
    Write(
        "sp-tables-attention", 0x09,
        Join({Packets(0x03, RpcPayload(std::string("[Other]..sp_tables"),
                                       {NVarChar("@table_name", "%"), NVarChar("", "dbo")})),
              Hex("06 01 00 08 00 00 01 00"), Packets(0x01, BatchPayload("use Other"), 4096, 0x08),
              Packets(0x01, BatchPayload("ignored"), 4096, 0x02)}));
    Bytes transaction = AllHeaders();
    for (const std::uint8_t b : {5, 0, 0, 0}) {
        transaction.push_back(b);
    }
    Write("transaction", 0x01, Packets(0x0E, transaction));
    return 0;
}
