#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "support/message_box_watcher.h"

// How a program is started: its command line (and working folder), how its boxes are
// answered (by default each box's default answer), what acts on the process before its
// first instruction and while it runs, and how long it may take.
struct ProgramStart
{
    std::wstring commandLine;
    MessageBoxWatcher::Answer answer = nullptr;
    std::function<void(DWORD processId)> whileSuspended = nullptr;
    std::function<void(DWORD processId)> whileRunning = nullptr;
    DWORD timeoutMs = 60000;
    std::wstring folder = L"";
};

// How one run went; a program that did not end in time is ended, and `ended` stays false.
struct ProgramRun
{
    bool ended = false;
    DWORD exitCode = 0;
    DWORD processId = 0;
    std::vector<SeenMessageBox> boxes;
};

ProgramRun RunProgram(const ProgramStart& start);

// Answers a Yes/No question with `answer` and any other box with its default.
MessageBoxWatcher::Answer AnswerQuestionsWith(int answer);
