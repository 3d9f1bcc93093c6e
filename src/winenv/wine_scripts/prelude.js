// The functions every script of Varnel's uses: writing a plain string, reading, checking an edit
// ("varnel N held" or "varnel N not held"), and reporting a string value in hex. The calls that
// use them follow, made by Varnel: write(path, text), check(i, test), report(i, path).
var shell = new ActiveXObject("WScript.Shell");
function write(path, text) { try { shell.RegWrite(path, text, "REG_SZ"); } catch (e) {} }
function read(path) { try { return shell.RegRead(path); } catch (e) { return undefined; } }
function dword(path) { var v = read(path); return typeof v == "number" ? v >>> 0 : undefined; }
function queried(command) { return shell.Run(command, 0, true) == 0; }
function check(i, test) {
  var held = false;
  try { held = test(); } catch (e) {}
  WScript.Echo("varnel " + i + (held ? " held" : " not held"));
}
function hex(s) {
  var r = "";
  for (var k = 0; k < s.length; k++) { var h = s.charCodeAt(k).toString(16); r += "0000".substr(h.length) + h; }
  return r;
}
function report(i, path) {
  var v;
  try { v = shell.RegRead(path); } catch (e) { WScript.Echo("varnel " + i + " none"); return; }
  WScript.Echo("varnel " + i + (typeof v == "string" ? " text " + hex(v) : " other"));
}
