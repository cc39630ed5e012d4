#pragma once

#include <QCursor>
#include <QGuiApplication>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs/user_dialogs.h"

// Answers the window's questions from a queue filled in advance, and records
// what it was asked and shown, so that no modal dialog ever waits in a test.
class TFakeUserDialogs : public quorva::TUserDialogs {
public:
    std::deque<std::optional<std::string>> nextFileNames;

    std::vector<TSaveFile> saveQuestions;
    int openQuestions = 0;
    // Where each file dialog would have started, in the order asked.
    std::vector<quorva::TFileProposal> proposals;
    std::vector<std::string> shownErrors;
    std::vector<std::string> reportedFailures;
    // The override cursor while the error dialog would have been up.
    std::vector<Qt::CursorShape> cursorsWhileShowingError;
    bool askedWithoutAnswer = false;
    // Answers to the questions before rows are dropped or a file replaced;
    // each question asked is counted. Unless told otherwise the rows are
    // discarded, as by someone who opens another file on purpose.
    std::deque<TUnsavedAnswer> unsavedAnswers;
    int unsavedQuestions = 0;
    std::vector<TDropping> unsavedReasons;
    bool replaceChangedFile = false;
    std::vector<std::string> changedFileQuestions;
    // Answers to the restore question in turn, then `restoreAnswer`.
    std::deque<TRestoreAnswer> restoreAnswers;
    TRestoreAnswer restoreAnswer = TRestoreAnswer::Restore;
    std::vector<std::string> restoreQuestions;

    std::optional<std::string> ChooseSaveFile(TSaveFile kind,
                                              const quorva::TFileProposal& proposal = {}) override
    {
        saveQuestions.push_back(kind);
        proposals.push_back(proposal);
        return NextFileName();
    }

    std::optional<std::string> ChooseOpenFile(const quorva::TFileProposal& proposal = {}) override
    {
        ++openQuestions;
        proposals.push_back(proposal);
        return NextFileName();
    }

    void ShowError(const std::string& message) override
    {
        shownErrors.push_back(message);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        cursorsWhileShowingError.push_back(cursor ? cursor->shape() : Qt::ArrowCursor);
    }

    void ReportFailure(const std::string& message) override { reportedFailures.push_back(message); }

    // Questions are answered from `answers`, then no.
    std::deque<bool> answers;
    std::vector<std::string> questions;
    bool Ask(const std::string& question) override
    {
        questions.push_back(question);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }

    // The same, answered yes when `answers` is empty.
    bool AskYesByDefault(const std::string& question) override
    {
        if (answers.empty())
            answers.push_back(true);
        return Ask(question);
    }

    TUnsavedAnswer AskSaveUnsavedRows(TDropping dropping) override
    {
        ++unsavedQuestions;
        unsavedReasons.push_back(dropping);
        if (unsavedAnswers.empty())
            return TUnsavedAnswer::Discard;
        const TUnsavedAnswer answer = unsavedAnswers.front();
        unsavedAnswers.pop_front();
        return answer;
    }

    bool AskReplaceChangedFile(const std::string& fileName) override
    {
        changedFileQuestions.push_back(fileName);
        return replaceChangedFile;
    }

    TRestoreAnswer AskRestoreRows(const std::string& message) override
    {
        restoreQuestions.push_back(message);
        if (restoreAnswers.empty())
            return restoreAnswer;
        const TRestoreAnswer answer = restoreAnswers.front();
        restoreAnswers.pop_front();
        return answer;
    }

private:
    std::optional<std::string> NextFileName()
    {
        if (nextFileNames.empty()) {
            askedWithoutAnswer = true;
            return std::nullopt;
        }
        auto name = nextFileNames.front();
        nextFileNames.pop_front();
        return name;
    }
};
