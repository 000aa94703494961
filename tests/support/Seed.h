#pragma once

#include <QtGlobal>

#include <random>

// The seed of a randomised test: the one the variable names, to repeat a failed run, or a new one.
inline unsigned seedFrom(const char* variable)
{
    return qEnvironmentVariableIsSet(variable) ? unsigned(qEnvironmentVariableIntValue(variable))
                                               : std::random_device{}();
}
