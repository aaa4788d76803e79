#pragma once
// Fixtures of the transfer screen tests: one data module on a fresh database
// per test program, Turkish number settings, recorded message boxes, a fixed
// clock and a private folder for the written files.
#include "TransferTestKit.h"
#include "support/db/TestDataModule.h"

#include "platform/rtl/SysUtils.h"

#include <memory>

namespace transfertest {

class TScreenFixture : public TDataModuleSuite {
protected:
    TScreenFixture() {
        // 15.03.2016 10:00
        SetNowProvider([] { return EncodeDate(2016, 3, 15) + 10.0 / 24; });
    }
    ~TScreenFixture() override { SetNowProvider({}); }

    static void Exec(const AnsiString& Script) { DM().Execute(Script); }

    TFormatSettingsGuard Settings{TurkishFormatSettings()};
    TScriptedPrompter Prompts;
    TPrompterGuard PromptGuard{&Prompts};
    TTempFolder Folder;
};

}  // namespace transfertest
