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

// prepare (sp_prepare), execute twice (sp_execute), unprepare (sp_unprepare).
function prepared(connection) {
  return new Promise((resolve, reject) => {
    const results = [];
    let rows = [];
    const request = new Request(
        'SELECT TABLE_SCHEMA FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = @name ' +
            'ORDER BY TABLE_SCHEMA',
        (err) => {
          if (err) {
            reject(err);
          }
        });
    request.addParameter('name', TYPES.NVarChar);
    request.on('row', (columns) => rows.push(columns.map((c) => c.value)));
    const names = ['Customers', 'Orders'];
    request.on('prepared', () => connection.execute(request, { name: names[0] }));
    request.on('requestCompleted', () => {
      if (request.handle === undefined) {
        return;
      }
      if (names.length > 0 && rows !== null) {
        results.push(rows);
        rows = [];
        names.shift();
        if (names.length > 0) {
          connection.execute(request, { name: names[0] });
          return;
        }
        rows = null;
        connection.unprepare(request);
        return;
      }
      resolve(results);
    });
    connection.prepare(request);
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
    // Several messages of one request arrive as an AggregateError.
    out.syntaxError = err.errors ? err.errors.map((e) => e.number) : err.number;
  }
  out.afterError = await run(c, 'sql', 'select db_name()');
  out.prepared = await prepared(c);
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
