#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace quillon::platform::x11 {

// Frees what xcb hands out with malloc (replies, errors, events).
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbPtr = std::unique_ptr<T, FreeDeleter>;

// The atoms this program reads and writes, interned once per connection.
enum class Atom : std::size_t {
    NetActiveWindow,
    NetClientListStacking,
    NetSupported,
    NetSupportingWmCheck,
    NetWmState,
    NetWmStateHidden,
    NetWmWindowType,
    NetWmWindowTypeDock,
    NetWmWindowTypeDesktop,
    WmState,
    WmTransientFor,
    Count
};

// One connection to the X server, closed when the object goes away. Every query here is a
// round trip that answers "nothing" (0, empty, nullopt) when the server reports an error.
class XcbConnection {
public:
    // Connects to the display named by DISPLAY. Check Ok() before use.
    XcbConnection();
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    bool Ok() const;
    xcb_connection_t* get() const { return connection_; }
    xcb_window_t Root() const { return root_; }
    xcb_atom_t atom(Atom which) const { return atoms_[static_cast<std::size_t>(which)]; }

    // A window-valued property (type WINDOW, or an owner for WM_TRANSIENT_FOR); 0 when missing.
    xcb_window_t WindowProperty(xcb_window_t window, xcb_atom_t property) const;
    // A property of 32-bit items (windows or atoms); empty when missing.
    std::vector<std::uint32_t> ListProperty(xcb_window_t window, xcb_atom_t property,
                                            xcb_atom_t type) const;
    bool HasProperty(xcb_window_t window, xcb_atom_t property) const;
    // The parent of a window; 0 for a top-level window (its parent is the root) or on error.
    xcb_window_t Parent(xcb_window_t window) const;

    // Sends what is buffered without waiting for the server.
    void Flush() const;
    // Waits for the server to have handled everything sent so far.
    void Sync() const;

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    std::array<xcb_atom_t, static_cast<std::size_t>(Atom::Count)> atoms_{};
};

}  // namespace quillon::platform::x11
