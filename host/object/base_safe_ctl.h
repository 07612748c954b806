#pragma once
// baseSafeCtl: the component's scripting-safety flags, one pair per apartment.
namespace kestor::server::base_safe_ctl {

// Automation booleans: true is -1; any non-zero value counts as true.
using VariantBool = short;
constexpr VariantBool kTrue = -1;
constexpr VariantBool kFalse = 0;

struct Flags {
  VariantBool safeForScripting = kFalse;
  VariantBool safeForInitializing = kFalse;
};

// The calling apartment's flags; both false until its start-up has run.
Flags flags();

// The start-up routine: sets SafeForScripting, then SafeForInitializing, to true.
void startUp();

// Runs startUp once per apartment; called before the apartment's first object is built.
void startUpOnce();

}  // namespace kestor::server::base_safe_ctl
