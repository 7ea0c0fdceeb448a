'use strict';
// Cases that still fail because the stand-in differs from SQL Server there. Remove a name when its difference
// closes: a listed case that passes fails the run.
module.exports = new Set([
  'login: TDS 7.1',
  'named instance: HOST\\SQLEXPRESS found through the browser service',
  'named instance: an unknown instance gets no port',
  'column types: datetime column, with and without NULL',
  'column types: CAST of a text to datetime',
  'column types: literal \'abc\' is varchar(3)',
  'column types: literal N\'abc\' is nvarchar(3)',
  'column types: literal 1.5 is numeric(2,1)',
  'column types: typed NULLs keep their types',
  'numeric scale: a value below the scale is rounded away',
  'error 8115: numeric overflow of numeric(19,4)',
  'collation: \'a\' = \'A \' between a literal and a parameter',
  'error 9402: CAST to xml of a UTF-8 declaration in Unicode text',
  'error 156: keyword where an expression belongs',
  'error 2812: unknown word at the start of a batch is a procedure call',
  'batch after error: a duplicate key ends the statement, the batch goes on',
  'cancel: a slow statement, connection usable afterwards',
  'cancel: request timeout, connection usable afterwards',
  'transaction: begin and commit requests',
  'transaction: begin and rollback requests',
  'transaction: rolled back on disconnect',
  'transaction: BEGIN TRAN, @@TRANCOUNT, ROLLBACK in T-SQL',
  'transaction: BEGIN TRANSACTION and COMMIT in separate batches',
  'transaction: SET IMPLICIT_TRANSACTIONS ON, then ROLLBACK',
]);
