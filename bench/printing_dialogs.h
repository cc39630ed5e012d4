#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "ui/dialogs/user_dialogs.h"

namespace quorva::bench {

// Says no to every question and prints what would be shown, so that nothing
// waits for a person; a Save goes to `saveAs` when one is given.
class TPrintingDialogs : public TUserDialogs {
public:
    std::optional<std::string> saveAs;

    std::optional<std::string> ChooseSaveFile(TSaveFile, const TFileProposal&) override
    {
        return saveAs;
    }
    std::optional<std::string> ChooseOpenFile(const TFileProposal&) override
    {
        return std::nullopt;
    }
    void ShowError(const std::string& message) override { Print(message); }
    void ReportFailure(const std::string& message) override { Print(message); }
    bool Ask(const std::string&) override { return false; }
    bool AskYesByDefault(const std::string&) override { return false; }
    TUnsavedAnswer AskSaveUnsavedRows(TDropping) override { return TUnsavedAnswer::Cancel; }
    bool AskReplaceChangedFile(const std::string&) override { return true; }
    TRestoreAnswer AskRestoreRows(const std::string&) override { return TRestoreAnswer::Later; }

private:
    static void Print(const std::string& message)
    {
        std::fprintf(stderr, "shown: %s\n", message.c_str());
    }
};

} // namespace quorva::bench
