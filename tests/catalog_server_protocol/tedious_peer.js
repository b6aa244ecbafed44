// Drives catalog-server with the Node.js driver tedious and prints what came back as one JSON
// object. Usage: node tedious_peer.js PORT USER PASSWORD (queries|cancel)
'use strict';
const { Connection, Request, TYPES } = require('tedious');

const [port, user, password, mode] = process.argv.slice(2);

function connect(pass) {
  return new Promise((resolve, reject) => {
    const connection = new Connection({
      server: '127.0.0.1',
      authentication: { type: 'default', options: { userName: user, password: pass } },
      options: { port: Number(port), database: 'Orders', encrypt: false, connectTimeout: 10000 },
    });
    connection.on('connect', (err) => (err ? reject(err) : resolve(connection)));
    connection.on('error', () => {});
    connection.connect();
  });
}

// Runs a request; resolves with its rows (arrays of values) or rejects with the error.
function run(connection, kind, sql, params, onRequest) {
  return new Promise((resolve, reject) => {
    const rows = [];
    const request = new Request(sql, (err) => (err ? reject(err) : resolve(rows)));
    for (const [name, type, value] of params || []) {
      request.addParameter(name, type, value);
    }
    request.on('row', (columns) => rows.push(columns.map((c) => c.value)));
    if (kind === 'batch') {
      connection.execSqlBatch(request);
    } else if (kind === 'proc') {
      connection.callProcedure(request);
    } else {
      connection.execSql(request);
    }
    if (onRequest) {
      onRequest(request);
    }
  });
}

async function queries(out) {
  try {
    await connect('wrong');
    out.wrongPassword = 'accepted';
  } catch (err) {
    out.wrongPassword = err.code + ': ' + err.message;
  }
  const c = await connect(password);
  out.batch = await run(c, 'batch', 'select db_name()');
  out.execSql = await run(
    c, 'sql',
    'SELECT TABLE_SCHEMA, TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = @name ' +
        'ORDER BY TABLE_SCHEMA',
    [['name', TYPES.NVarChar, 'Customers']]);
  out.varchar = await run(
    c, 'sql', 'SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = @name',
    [['name', TYPES.VarChar, 'Gr\u00f6\u00dfen']]);
  out.nonAscii = await run(
    c, 'sql', 'SELECT name FROM sysobjects WHERE name = @name',
    [['name', TYPES.NVarChar, '\u0395\u03bb\u03bb\u03ac\u03b4\u03b1']]);
  out.spTables = await run(c, 'proc', 'sp_tables', [['table_name', TYPES.NVarChar, 'O%']]);
  try {
    await run(c, 'batch', "select * from sysobjects where name = 'O'Neil'");
    out.syntaxError = 'none';
  } catch (err) {
    out.syntaxError = err.number;
  }
  out.afterError = await run(c, 'sql', 'select db_name()');
  c.close();
}

async function cancel(out) {
  const c = await connect(password);
  try {
    await run(c, 'sql', 'select db_name()', [], (request) => setTimeout(() => c.cancel(), 100));
    out.cancelled = 'not cancelled';
  } catch (err) {
    out.cancelled = err.code;
  }
  out.afterCancel = await run(c, 'sql', 'select db_name()');
  c.close();
}

(async () => {
  const out = {};
  try {
    await (mode === 'cancel' ? cancel(out) : queries(out));
  } catch (err) {
    out.failure = String(err && (err.stack || err.message || err));
  }
  process.stdout.write(JSON.stringify(out) + '\n');
})();
