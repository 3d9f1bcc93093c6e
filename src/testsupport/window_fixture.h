#pragma once
// The window tests' fixture: a prefix with the real hive files, the registry, drives and session on it,
// scripted dialogs, a recording opener and help, and the windows' Forms made on request.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testsupport/recording_opener.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"
#include "windows/forms_ui.h"

namespace varnel::test {

class WindowTest : public ::testing::Test {
 protected:
  Forms& MakeForms(bool anotherCopy = false) {
    forms_ = std::make_unique<Forms>(session_, WindowServices{opener_, dialogs_, help_}, anotherCopy);
    return *forms_;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& s : dialogs_.shown) texts.push_back(s.text);
    return texts;
  }

  TempPrefix prefix_{true};
  Registry registry_{prefix_.path()};
  DriveMap drives_{prefix_.path()};
  // The change journal lives in a folder of the test's own.
  TempDir state_;
  Session session_{registry_, StateHomeIn(state_.path())};
  ScriptedDialogs dialogs_;
  RecordingOpener opener_;
  std::vector<QString> helpShown_;
  Help help_{[this](const QString& file) { helpShown_.push_back(file); }};
  std::unique_ptr<Forms> forms_;
};

}  // namespace varnel::test
