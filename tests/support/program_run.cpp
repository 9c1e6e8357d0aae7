#include "support/program_run.h"

#include "base/scoped_handle.h"

ProgramRun RunProgram(const ProgramStart& start)
{
    ProgramRun run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = start.commandLine;
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        start.folder.empty() ? nullptr : start.folder.c_str(), &startup, &process))
        return run;
    UniqueHandle processHolder(process.hProcess), thread(process.hThread);
    run.processId = process.dwProcessId;
    if (start.whileSuspended)
        start.whileSuspended(process.dwProcessId);
    {
        MessageBoxWatcher watcher(start.answer, process.dwProcessId);
        ResumeThread(process.hThread);
        if (start.whileRunning)
            start.whileRunning(process.dwProcessId);
        run.ended = WaitForSingleObject(process.hProcess, start.timeoutMs) == WAIT_OBJECT_0;
        run.boxes = watcher.Seen();
    }
    if (!run.ended) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    return run;
}

MessageBoxWatcher::Answer AnswerQuestionsWith(int answer)
{
    return [answer](const SeenMessageBox& box) {
        return box.hasButton[IDYES] ? answer : MessageBoxWatcher::DefaultAnswer(box);
    };
}
