// Kestor.Inventory from cscript: the typed JSON of real queries under Wine's WMI.
// JScript here has no JSON object; the result is read with eval, as ES3 pages do.
var inventory = new ActiveXObject("Kestor.Inventory");
function collect(queries) { return eval("(" + inventory.Collect(queries) + ")"); }

var adapters = collect("SELECT Description, IPAddress FROM Win32_NetworkAdapterConfiguration|").sections[0];
checkEqual(adapters["class"], "Win32_NetworkAdapterConfiguration", "the class is WMI's");
check(adapters.instances.length > 0, "an adapter configuration");
var withAddress = null;
for (var i = 0; i < adapters.instances.length; i++) {
  if (adapters.instances[i].IPAddress !== null) withAddress = adapters.instances[i];
}
check(withAddress !== null && withAddress.IPAddress instanceof Array && withAddress.IPAddress.length > 0 &&
      typeof withAddress.IPAddress[0] === "string", "IPAddress is an array of texts");
checkEqual(adapters.error, null, "no error");

var bios = collect("SELECT * FROM Win32_BIOS|").sections[0];
checkEqual(bios.properties.join(",").indexOf("*"), -1, "SELECT * lists the properties, not *");
check(("," + bios.properties.join(",") + ",").indexOf(",Manufacturer,") >= 0, "Manufacturer among them");
check(typeof bios.instances[0].Manufacturer === "string", "the instance holds it");
check(bios.instances[0].ReleaseDate === null || /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}[+-]\d\d:\d\d$/.test(bios.instances[0].ReleaseDate),
      "a date-time in ISO 8601: " + bios.instances[0].ReleaseDate);

var result = collect("SELECT Name FROM|SELECT Caption FROM Win32_OperatingSystem|");
checkEqual(result.sections.length, 2, "both queries answered");
check(result.sections[0].error !== null && result.sections[0].error.number < 0 &&
      typeof result.sections[0].error.description === "string", "an invalid query fails with WMI's code");
checkEqual(result.sections[1].instances.length, 1, "the next query still runs");

var missing = collect("SELECT Caption, NoSuchProperty FROM Win32_OperatingSystem|").sections[0];
checkEqual(missing.warnings.length, 1, "a property that cannot be read is one warning");
checkEqual(missing.instances[0].NoSuchProperty, null, "and null");
check(typeof missing.instances[0].Caption === "string", "the other property is read");

var threw = false;
try { inventory.Collect(); } catch (e) { threw = true; }
check(threw, "Collect without its argument fails");
finish();
