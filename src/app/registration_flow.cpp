#include "app/registration_flow.h"

#include "config/shell_registration.h"
#include "ui/strings.h"

namespace zendrel::app {

RegistrationFlowResult ToggleShellRegistration(platform::Registry& registry,
                                               const std::string& modulePath,
                                               ui::MessageBoxes& boxes,
                                               const std::string& caption) {
  // Decided once, before the question.
  const bool registered = config::IsRegistered(registry, config::VerbCommand(modulePath));
  if (boxes.Show(caption, registered ? IDS_ASK_UNREGISTER : IDS_ASK_REGISTER,
                 ui::MessageKind::kQuestion) != ui::Answer::kYes) {
    return RegistrationFlowResult::kDeclined;
  }

  if (registered) {
    const bool removed = config::Unregister(registry);
    // Even a refused removal may have taken the user's own part away.
    registry.NotifyShell();
    if (!removed) {
      boxes.Show(caption, IDS_UNREGISTER_REFUSED, ui::MessageKind::kStop);
      return RegistrationFlowResult::kRefused;
    }
    boxes.Show(caption, IDS_UNREGISTERED, ui::MessageKind::kInformation);
    return RegistrationFlowResult::kRemoved;
  }

  // The verb is what the user asked for; the uninstall entry follows it where it can.
  const config::Scope verb = config::Register(registry, modulePath).verb;
  if (verb == config::Scope::kRefused) {
    boxes.Show(caption, IDS_REGISTER_REFUSED, ui::MessageKind::kStop);
    return RegistrationFlowResult::kRefused;
  }
  registry.NotifyShell();
  boxes.Show(caption, verb == config::Scope::kMachine ? IDS_REGISTERED : IDS_REGISTERED_FOR_USER,
             ui::MessageKind::kInformation);
  return RegistrationFlowResult::kRegistered;
}

}  // namespace zendrel::app
