#pragma once
// The window tests' fixture: the session fixture's prefix, registry and session, here with the
// real hive files (or without them, for a test that lays out its own), scripted dialogs, a
// recording opener and help, and the windows' Forms made on request.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testsupport/recording_opener.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/session_fixture.h"
#include "windows/forms_ui.h"

namespace varnel::test {

class WindowTest : public SessionFixture {
 protected:
  explicit WindowTest(bool withCorpusHives = true) : SessionFixture(withCorpusHives) {}

  Forms& MakeForms(bool anotherCopy = false) {
    forms_ = std::make_unique<Forms>(session_, WindowServices{opener_, dialogs_, help_}, anotherCopy);
    return *forms_;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& s : dialogs_.shown) texts.push_back(s.text);
    return texts;
  }

  ScriptedDialogs dialogs_;
  RecordingOpener opener_;
  std::vector<QString> helpShown_;
  Help help_{[this](const QString& file) { helpShown_.push_back(file); }};
  std::unique_ptr<Forms> forms_;
};

}  // namespace varnel::test
