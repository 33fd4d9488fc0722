// References in the parameter file's options and arguments that the launcher will expand to
// nothing: %NAME% of a variable that Windows does not define, without a default, as a
// "%d of %s" meant literally becomes.
#pragma once

#include <string>
#include <vector>

// A warning line for each word holding such a reference, read as the launcher reads %...%,
// naming option and showing what the app will receive; empty when there are none.
std::string unset_variable_warnings(const std::string& option,
                                    const std::vector<std::string>& words);
