#pragma once

#include <QString>

namespace nuvo {

// The failure text for a unit the system does not let the user open, on Linux a missing or
// not yet applied udev rule: it names the rule where installing put it (beside the program's
// folder, <prefix>/lib/udev/rules.d/, for a program in <prefix>/lib/nuvo/), or where to copy
// it for a program built by hand, and the manual's chapter on it.
QString permissionDeniedText(const QString& programDir);

}  // namespace nuvo
