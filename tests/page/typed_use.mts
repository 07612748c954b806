// A page's typed use of the package: what the declarations must accept and refuse.
import Kestor, { connect, parseReport, ErrorCode, type KestorObject, type KestorError } from "kestor";

const controller = new AbortController();
const k: KestorObject = await connect({ transport: "bridge", timeout: 500, callTimeout: 1000 });
k.WMIAttributesOfInterest = "SELECT Name FROM Win32_BIOS|";
const id: string = await k.SetData({ timeout: 60000, signal: controller.signal });
const sections = parseReport(await k.GetData(id));
const first: string | null = sections[0].className;
const value: string | undefined = sections[0].instances[0]?.["Name"];
const when: string = await k.DateTime;
try {
  await Kestor.status();
} catch (e) {
  const code: Kestor.ErrorCodeValue = (e as KestorError).code;
  if (code === ErrorCode.TIMEOUT || code === "host-not-installed") console.log(first, value, when);
}
const inventory = await k.inventory(["SELECT IPAddress FROM Win32_NetworkAdapterConfiguration"], { timeout: 60000 });
const addresses: Kestor.JsonValue = inventory.typed ? inventory.sections[0].instances[0]["IPAddress"] : inventory.sections[0].className;
console.log(addresses);
// @ts-expect-error the queries are an array of texts
await k.inventory("SELECT Name FROM Win32_BIOS|");
// @ts-expect-error a file id is a text
await k.GetData(42);
// @ts-expect-error no such error code
const wrong: Kestor.ErrorCodeValue = "exploded";
await k.close();
