// Kestor.parseReport: the text GetData returns, read into its sections in order.
namespace Kestor {
  export interface ReportError {
    /** The query that failed; null when the line is not of the usual form. */
    query: string | null;
    number: number | null;
    description: string;
  }
  export interface ReportSection {
    /** The class line's text; null for an error line that came before any class line of its own. */
    className: string | null;
    /** One object per instance: property name to value text ("Unknown" where unread), in list order. */
    instances: Array<{ [property: string]: string }>;
    error: ReportError | null;
  }

  const LINE_END = "\r\n";
  const CLASS = "[class=";
  const INSTANCE = "[INSTANCE]";
  const NAME = "[pname]=";
  const VALUE = "[pvalue]=";
  const ERROR = "[ERROR]=";
  const STATUS = "Error executing ";

  function startsWith(text: string, prefix: string): boolean {
    return text.substring(0, prefix.length) === prefix;
  }

  function isMarkerLine(line: string): boolean {
    return startsWith(line, CLASS) || line === INSTANCE || startsWith(line, NAME) ||
      startsWith(line, VALUE) || startsWith(line, ERROR);
  }

  // "Error executing <query>:<number>:<description>". The query may hold colons and
  // digits of its own, so the number is the last ":<digits>:" of the first line.
  function parseError(text: string): ReportError {
    const firstLine = text.split(LINE_END)[0];
    let last: RegExpExecArray | null = null;
    if (startsWith(firstLine, STATUS)) {
      const numberAt = /:(-?\d+):/g;
      let match: RegExpExecArray | null;
      while ((match = numberAt.exec(firstLine)) !== null) {
        last = match;
        numberAt.lastIndex = match.index + 1;
      }
    }
    if (last === null) return { query: null, number: null, description: text };
    return {
      query: firstLine.substring(STATUS.length, last.index),
      number: parseInt(last[1], 10),
      description: text.substring(last.index + last[0].length)
    };
  }

  /**
   * The sections of a report in order. A line that starts with no marker continues
   * the value or error description before it (CR LF kept). An error line belongs to
   * the section whose class line it follows before any instance; elsewhere the runner
   * wrote it without a class line, and it is a section of its own. Throws on a text
   * that is no report.
   */
  export function parseReport(text: string): ReportSection[] {
    const sections: ReportSection[] = [];
    let section: ReportSection | null = null;
    let instance: { [property: string]: string } | null = null;
    let property: string | null = null;
    let errorText: string | null = null;
    let continues: "value" | "error" | null = null;
    const lines = String(text).split(LINE_END);
    // Every line ends with CR LF, so the split leaves one empty piece at the end.
    if (lines[lines.length - 1] === "") lines.length = lines.length - 1;

    function closeError(): void {
      if (section !== null && errorText !== null) section.error = parseError(errorText);
      errorText = null;
    }

    for (let i = 0; i < lines.length; i++) {
      const line = lines[i];
      if (continues === "value" && !isMarkerLine(line) && instance !== null && property !== null) {
        instance[property] += LINE_END + line;
      } else if (continues === "error" && !isMarkerLine(line)) {
        errorText += LINE_END + line;
      } else if (startsWith(line, CLASS) && line.charAt(line.length - 1) === "]") {
        closeError();
        section = { className: line.substring(CLASS.length, line.length - 1), instances: [], error: null };
        sections.push(section);
        instance = property = continues = null;
      } else if (startsWith(line, ERROR)) {
        closeError();
        if (section === null || section.instances.length > 0 || section.error !== null) {
          section = { className: null, instances: [], error: null };
          sections.push(section);
        }
        errorText = line.substring(ERROR.length);
        instance = property = null;
        continues = "error";
      } else if (line === INSTANCE && section !== null && section.className !== null) {
        instance = {};
        section.instances.push(instance);
        property = continues = null;
      } else if (startsWith(line, NAME) && instance !== null) {
        property = line.substring(NAME.length);
        continues = null;
      } else if (startsWith(line, VALUE) && instance !== null && property !== null && continues === null) {
        instance[property] = line.substring(VALUE.length);
        continues = "value";
      } else {
        throw new Error("not a Kestor report: line " + (i + 1) + " is out of place: " + line);
      }
    }
    closeError();
    return sections;
  }
}
