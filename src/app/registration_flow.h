// Started without a folder: the questions and messages around registering the program with
// the shell, or removing that registration.
#pragma once

#include <string>

#include "platform/registry.h"
#include "ui/message_box.h"

namespace zendrel::app {

enum class RegistrationFlowResult {
  kDeclined,    // the user answered No: nothing changed
  kRegistered,  // machine-wide or for the current user
  kRemoved,
  kRefused,  // the registry refused the change; the user was told so
};

// Asks whether to register the program at `modulePath` (not registered from there) or to
// remove the registration (registered from there), does it on Yes, says truthfully what
// happened and tells the shell after a change. Message boxes carry `caption`.
RegistrationFlowResult ToggleShellRegistration(platform::Registry& registry,
                                               const std::string& modulePath,
                                               ui::MessageBoxes& boxes, const std::string& caption);

}  // namespace zendrel::app
