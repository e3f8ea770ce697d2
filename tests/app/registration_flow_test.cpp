// The questions and messages of the registration flow, for an administrator and for a
// standard user, through a registry that refuses what such a user is refused.
#include "app/registration_flow.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/refusing_registry.h"
#include "config/registry_key.h"
#include "config/shell_registration.h"
#include "support/fake_boxes.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "ui/strings.h"

namespace zendrel::app {
namespace {

using Result = RegistrationFlowResult;
using ui::Answer;
using ui::MessageKind;

struct Step {
  std::vector<platform::RegHandle> refused;  // roots that refuse changes during this start
  Answer answer;
  Result result;
  std::vector<int> messages;
  MessageKind lastKind;
  int notifications;  // shell notifications so far
};

class RegistrationFlowTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    registry_.refusedRoots.clear();
    config::Unregister(registry_);
  }

  // Starts the program without a folder once per step, and checks what the user saw.
  void Run(const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      SCOPED_TRACE("start " + std::to_string(i + 1));
      const Step& step = steps[i];
      registry_.refusedRoots.clear();
      registry_.refusedRoots.insert(step.refused.begin(), step.refused.end());
      boxes_.shown.clear();
      boxes_.answers = {step.answer};
      EXPECT_EQ(ToggleShellRegistration(registry_, program_, boxes_, "Zendrel"), step.result);
      EXPECT_EQ(boxes_.Ids(), step.messages);
      ASSERT_FALSE(boxes_.shown.empty());
      EXPECT_EQ(boxes_.shown.front().kind, MessageKind::kQuestion);
      EXPECT_EQ(boxes_.shown.back().kind, step.lastKind);
      EXPECT_EQ(boxes_.shown.back().caption, "Zendrel");
      EXPECT_EQ(registry_.notifications, step.notifications);
    }
  }

  test::TempDir dir_;
  test::ScopedVariable config_{"XDG_CONFIG_HOME", dir_.File("config").c_str()};
  test::ScopedVariable data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
  test::RefusingRegistry registry_;
  test::FakeBoxes boxes_;
  const std::string program_ = dir_.File("Zendrel.exe");
};

const platform::RegHandle kClasses = platform::ClassesRoot();
const platform::RegHandle kMachine = platform::LocalMachine();
const platform::RegHandle kUser = platform::CurrentUser();

TEST_F(RegistrationFlowTest, AnAdministratorRegistersAndRemoves) {
  Run({
      {{}, Answer::kNo, Result::kDeclined, {IDS_ASK_REGISTER}, MessageKind::kQuestion, 0},
      {{},
       Answer::kYes,
       Result::kRegistered,
       {IDS_ASK_REGISTER, IDS_REGISTERED},
       MessageKind::kInformation,
       1},
      {{}, Answer::kNo, Result::kDeclined, {IDS_ASK_UNREGISTER}, MessageKind::kQuestion, 1},
      {{},
       Answer::kYes,
       Result::kRemoved,
       {IDS_ASK_UNREGISTER, IDS_UNREGISTERED},
       MessageKind::kInformation,
       2},
  });
}

TEST_F(RegistrationFlowTest, AStandardUserIsToldTheTruth) {
  Run({
      // Registered for this user only, and told so.
      {{kClasses, kMachine},
       Answer::kYes,
       Result::kRegistered,
       {IDS_ASK_REGISTER, IDS_REGISTERED_FOR_USER},
       MessageKind::kInformation,
       1},
      {{kClasses, kMachine},
       Answer::kYes,
       Result::kRemoved,
       {IDS_ASK_UNREGISTER, IDS_UNREGISTERED},
       MessageKind::kInformation,
       2},
      // Nowhere to write: no claim of success, and nothing for the shell to learn.
      {{kClasses, kMachine, kUser},
       Answer::kYes,
       Result::kRefused,
       {IDS_ASK_REGISTER, IDS_REGISTER_REFUSED},
       MessageKind::kStop,
       2},
      // An administrator's registration that a standard user cannot remove.
      {{},
       Answer::kYes,
       Result::kRegistered,
       {IDS_ASK_REGISTER, IDS_REGISTERED},
       MessageKind::kInformation,
       3},
      {{kClasses, kMachine},
       Answer::kYes,
       Result::kRefused,
       {IDS_ASK_UNREGISTER, IDS_UNREGISTER_REFUSED},
       MessageKind::kStop,
       4},
      // Still registered: the next start asks to remove it again.
      {{},
       Answer::kYes,
       Result::kRemoved,
       {IDS_ASK_UNREGISTER, IDS_UNREGISTERED},
       MessageKind::kInformation,
       5},
  });
}

}  // namespace
}  // namespace zendrel::app
