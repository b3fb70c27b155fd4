// The help text that both windows show in their help box: what each conversion choice does.
#pragma once

#include <string>

// The help text, each line ended by carriage return and line feed.
std::string HelpText();
