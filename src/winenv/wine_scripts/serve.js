// The session's loop, after the first reads: request files BASE.1.js, BASE.2.js, ... are run in
// turn as they appear, each answered with "varnel done N"; the request "end", or two seconds
// without one, ends it. Wine's cscript has no WScript.Sleep, so between requests the loop waits
// on the wake pipe BASE.wake, a FIFO Varnel holds open and writes a line to after each request
// and every half second: reading it blocks without using the processor. When Varnel is gone
// (no one holds the pipe) or the pipe cannot be read, the loop ends.
WScript.Echo("varnel ready");
var files = new ActiveXObject("Scripting.FileSystemObject");
function awoken(wake) {
  try {
    var pipe = files.OpenTextFile(wake, 1);
    var woken = !pipe.AtEndOfStream;
    pipe.Close();
    return woken;
  } catch (e) {
    return false;
  }
}
function serve(base) {
  var idleSince = new Date().getTime();
  for (var n = 1; new Date().getTime() - idleSince < 2000;) {
    var name = base + "." + n + ".js";
    if (!files.FileExists(name)) {
      if (!awoken(base + ".wake")) return;
      continue;
    }
    var file = files.OpenTextFile(name, 1);
    var text = file.AtEndOfStream ? "" : file.ReadAll();
    file.Close();
    try { files.DeleteFile(name); } catch (e) {}
    if (text == "end") return;
    try { eval(text); } catch (e) {}
    WScript.Echo("varnel done " + n);
    n++;
    idleSince = new Date().getTime();
  }
}
serve(VARNEL_BASE);
