#pragma once

#include "context/AppContext.h"
#include "context/Clock.h"
#include "support/FakeOperatorPort.h"

#include <QString>

#include <memory>

// What a test that runs only as a child process of another works in: the working directory its parent
// names in an environment variable, the real clock and an operator who answers nothing.
struct ChildContext
{
    explicit ChildContext(const QString& workDir) : dir(workDir), ctx(workDir, clock, op) {}

    // Empty when the variable is not set, that is when the test runs on its own rather than as a child.
    static std::unique_ptr<ChildContext> fromEnvironment(const char* variable)
    {
        const QString workDir = qEnvironmentVariable(variable);
        return workDir.isEmpty() ? nullptr : std::make_unique<ChildContext>(workDir);
    }

    QString dir;
    SystemClock clock;
    FakeOperatorPort op;
    AppContext ctx;
};
