// The software commands: what each asks of the engine and what it prints.
#include "tools/zoltctl/software_command.h"

#include "tools/zoltctl/output.h"

#include "software/tester_software_names.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

using namespace zoltctl;

SoftwareCommand::SoftwareCommand(TesterSoftwareEngine& engine, SoftwareCommandLine line,
                                 CopyStarter copy, QObject* parent)
    : QObject(parent), engine_(engine), line_(std::move(line)), copy_(std::move(copy))
{
    connect(&engine_, &TesterSoftwareEngine::Settled, this, &SoftwareCommand::OnSettled);
    connect(&engine_, &TesterSoftwareEngine::Failed, this, &SoftwareCommand::OnFailure);
    connect(&engine_, &TesterSoftwareEngine::ConflictQuestion, this,
            &SoftwareCommand::OnQuestion);
    connect(&engine_, &TesterSoftwareEngine::CopyRequested, this, &SoftwareCommand::OnCopy);
    connect(&engine_, &TesterSoftwareEngine::SlotSkipped, this, [this](int slot) {
        const std::string& file = engine_.Selection()[std::size_t(slot)].ecu.fileName;
        std::printf("%s\n", Say(kSkipped, {Escaped(file)}).c_str());
        std::fflush(stdout);
    });
    connect(&engine_, &TesterSoftwareEngine::FileDeleted, this, [this](const std::string& name) {
        ++deleted_;
        std::printf("%s\n", Say(kDeleted, {Escaped(name)}).c_str());
        std::fflush(stdout);
    });
    if (line_.command == "dir")
        connect(&engine_, &TesterSoftwareEngine::EntryListed, this,
                [](int index, int kind, const std::string& date, const std::string& version,
                   const std::string& name) {
                    std::printf("%2d  %d  %s  %s  %s\n", index, kind, Escaped(date).c_str(),
                                Escaped(version).c_str(), Escaped(name).c_str());
                    std::fflush(stdout);
                });
}

std::string SoftwareCommand::DisplayName(const TesterFileTable& table,
                                         const TesterSoftwareGroup& group)
{
    if (!group.split)
        return table.Files()[std::size_t(group.files.front())].name;
    if (group.complete)
        return group.name + group.middle + std::to_string(group.bytes);
    // There is no whole software to name yet: what the tester holds is these files.
    std::string names;
    for (int file : group.files)
        names += (names.empty() ? "" : ", ") + table.Files()[std::size_t(file)].name;
    return names;
}

bool SoftwareCommand::Names(const TesterFileTable& table, const TesterSoftwareGroup& group,
                            const std::string& wanted)
{
    if (wanted.empty())
        return false;
    const std::string whole = group.split ? group.name + group.middle + std::to_string(group.bytes)
                                          : table.Files()[std::size_t(group.files.front())].name;
    if (wanted == ParseSoftwareName(whole).base)
        return true;
    if (group.split && !group.complete)
        return std::any_of(group.files.begin(), group.files.end(), [&](int file) {
            return table.Files()[std::size_t(file)].name == wanted;
        });
    return wanted == whole;
}

void SoftwareCommand::Start()
{
    const bool purge = line_.command == "purge" || line_.command == "download";
    engine_.SetPurgeAfterListing(purge);
    engine_.SetKeepTesterFiles(line_.keep);
    if (line_.command == "download") {
        for (const std::string& path : line_.operands) {
            const QFileInfo file(QString::fromStdString(path));
            const std::string name = file.fileName().toStdString();
            // The file's own name stands for the ECU: the same file twice is chosen once.
            engine_.AddToSelection({name, name}, file.absolutePath().toStdString());
            if (finished_)
                return;
        }
    }
    engine_.StartListing();
}

void SoftwareCommand::OnSettled()
{
    if (finished_)
        return;
    ++phase_;
    if (line_.command == "ls") {
        PrintListing();
        Finish(0);
    } else if (line_.command == "dir") {
        Finish(0);
    } else if (line_.command == "purge") {
        if (deleted_ == 0)
            std::printf("%s\n", Say(kNothingToPurge).c_str());
        Finish(0);
    } else if (line_.command == "rm") {
        if (phase_ == 1) {
            if (!DeleteNamed())
                Finish(1);
        } else {
            Finish(0);
        }
    } else if (line_.command == "download") {
        if (phase_ == 1) {
            if (!engine_.Download() && !finished_)
                Finish(1);
        } else {
            PrintListing();
            Finish(copyFailed_ ? 1 : 0);
        }
    }
}

bool SoftwareCommand::DeleteNamed()
{
    const TesterFileTable& table = engine_.Table();
    std::vector<int> groups;
    for (const std::string& wanted : line_.operands) {
        bool found = false;
        for (std::size_t g = 0; g < table.Groups().size(); ++g) {
            const TesterSoftwareGroup& group = table.Groups()[g];
            if (Names(table, group, wanted)) {
                groups.push_back(int(g));
                found = true;
            }
        }
        // Nothing is deleted unless every name was found.
        if (!found) {
            PrintError(Say(kNoSuchSoftware, {Escaped(wanted)}));
            return false;
        }
    }
    return engine_.DeleteGroups(groups);
}

void SoftwareCommand::PrintListing() const
{
    const TesterFileTable& table = engine_.Table();
    if (table.Groups().empty())
        std::printf("%s\n", Say(kTesterEmpty).c_str());
    for (const TesterSoftwareGroup& group : table.Groups()) {
        std::string line = Escaped(DisplayName(table, group)) + "  " + Escaped(group.version) +
                           "  " + Escaped(group.date) + "  " + std::to_string(group.partsSeen) +
                           "/" + std::to_string(group.expectedParts);
        if (!group.complete)
            line += "  " + Say(kIncomplete);
        if (!group.deletable)
            line += "  " + Say(kNameNotUsable);
        std::printf("%s\n", line.c_str());
    }
    std::printf("%s\n", Say(kEntries, {std::to_string(engine_.EntryCounter())}).c_str());
    std::fflush(stdout);
}

void SoftwareCommand::OnFailure(const ErrorReport& report)
{
    // The dialog's system box is Italian in every language; the tool says it in the user's.
    if (!report.literal.empty())
        PrintError(report.literal == TesterSoftwareEngine::kIndexMismatchText
                       ? Say(kEntriesOutOfOrder)
                       : report.literal);
    else
        PrintError(ToolErrorText(report.number) + report.appended);
    engine_.Stop();
    Finish(1);
}

void SoftwareCommand::OnQuestion(const std::string& question)
{
    bool replace = line_.replace;
    if (!line_.replace && !line_.keep) {
        if (isatty(STDIN_FILENO) != 1) {
            PrintError(question);
            PrintError(Say(kCannotAsk));
            engine_.Stop();
            Finish(1);
            return;
        }
        std::printf("%s %s", question.c_str(), Say(kYesNoPrompt).c_str());
        std::fflush(stdout);
        std::string answer;
        std::getline(std::cin, answer);
        replace = MeansYes(answer);
    }
    engine_.AnswerConflict(replace);
}

void SoftwareCommand::OnCopy(const std::vector<TesterSoftwareEngine::CopyItem>& queue)
{
    copy_(queue, [this, files = int(queue.size())](int sent) {
        copyFailed_ = sent < files;
        engine_.CopyFinished(sent);
    });
}

void SoftwareCommand::Finish(int status)
{
    if (finished_)
        return;
    finished_ = true;
    std::fflush(stdout);
    emit Finished(status);
}
