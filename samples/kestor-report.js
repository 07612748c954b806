// Reads a Kestor report (the text GetData returns) into sections. Plain ES3, so the
// same file runs in a page, under the Windows Script Host's JScript and inside a
// script component.
//
//   var sections = KestorReport.parse(report);
//   sections[i].className        the class of the query ("" for an empty query)
//   sections[i].instances[j]     the instance's properties in query order:
//                                [{ name: "Name", value: "..." }, ...]
//   sections[i].error            null, or { text, query, number, description }
//
// A value the component could not read is the text "Unknown", as in the report.
// A report holds everything its object has collected so far: the report of a
// second run of the same object starts with the whole first report, so its first
// sections repeat. KestorReport.since(earlier, later) gives the part of a later
// report that an earlier one of the same object does not hold.
//
// Lines are ended by CR LF. A value or an error description may itself contain line
// breaks: a line that starts with no marker continues the line before it. A value
// that itself starts like a marker line cannot be told from one.
var KestorReport = (function () {
  var LINE_END = "\r\n";
  var CLASS = "[class=";
  var INSTANCE = "[INSTANCE]";
  var NAME = "[pname]=";
  var VALUE = "[pvalue]=";
  var ERROR = "[ERROR]=";
  var STATUS = "Error executing ";

  function startsWith(text, prefix) {
    return text.substring(0, prefix.length) === prefix;
  }

  function isMarkerLine(line) {
    return startsWith(line, CLASS) || line === INSTANCE || startsWith(line, NAME) ||
      startsWith(line, VALUE) || startsWith(line, ERROR);
  }

  // "Error executing <query>:<number>:<description>". The query may hold colons
  // and digits of its own, so the number is the last ":<digits>:" on the first line.
  function parseError(text) {
    var error = { text: text, query: null, number: null, description: null };
    var firstLine = text.split(LINE_END)[0];
    if (!startsWith(firstLine, STATUS)) return error;
    var numberAt = /:(-?\d+):/g, match, last = null;
    while ((match = numberAt.exec(firstLine)) !== null) {
      last = match;
      numberAt.lastIndex = match.index + 1;
    }
    if (last === null) return error;
    error.query = firstLine.substring(STATUS.length, last.index);
    error.number = parseInt(last[1], 10);
    error.description = text.substring(last.index + last[0].length);
    return error;
  }

  function parse(report) {
    var sections = [];
    var section = null, instance = null, property = null, errorText = null;
    // Where a line without a marker belongs: the last value or the error line.
    var continues = null;
    var lines = String(report).split(LINE_END);
    // Every line ends with CR LF, so the split leaves one empty piece at the end.
    if (lines.length > 0 && lines[lines.length - 1] === "") lines.length = lines.length - 1;

    function closeSection() {
      if (section !== null && errorText !== null) section.error = parseError(errorText);
      errorText = null;
    }

    for (var i = 0; i < lines.length; i++) {
      var line = lines[i];
      if (startsWith(line, CLASS) && line.charAt(line.length - 1) === "]") {
        closeSection();
        section = { className: line.substring(CLASS.length, line.length - 1), instances: [], error: null };
        sections[sections.length] = section;
        instance = property = continues = null;
      } else if (section === null) {
        throw new Error("not a Kestor report: line " + (i + 1) + " comes before any class line");
      } else if (line === INSTANCE) {
        instance = [];
        section.instances[section.instances.length] = instance;
        property = continues = null;
      } else if (startsWith(line, NAME) && instance !== null) {
        property = { name: line.substring(NAME.length), value: null };
        instance[instance.length] = property;
        continues = null;
      } else if (startsWith(line, VALUE) && property !== null && property.value === null) {
        property.value = line.substring(VALUE.length);
        continues = "value";
      } else if (startsWith(line, ERROR)) {
        errorText = line.substring(ERROR.length);
        continues = "error";
      } else if (continues === "value" && !isMarkerLine(line)) {
        property.value += LINE_END + line;
      } else if (continues === "error" && !isMarkerLine(line)) {
        errorText += LINE_END + line;
      } else {
        throw new Error("not a Kestor report: line " + (i + 1) + " is out of place: " + line);
      }
    }
    closeSection();
    return sections;
  }

  function since(earlier, later) {
    earlier = String(earlier);
    later = String(later);
    if (later.substring(0, earlier.length) !== earlier) {
      throw new Error("the later report does not start with the earlier one: not the same object");
    }
    return later.substring(earlier.length);
  }

  return { parse: parse, since: since };
})();
