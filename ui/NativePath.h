// Paths as the file system has them: bytes, which need not be valid UTF-8. A field shows a path as
// text; what the user did not change keeps its bytes.
#pragma once

#include <QString>

#include <string>

QString DisplayPath(const std::string& bytes);
std::string TypedPath(const QString& text);

// The file a file dialog's choice means: the choice when it exists; otherwise the file of its
// folder whose name shows the same (a name that is not valid UTF-8 shows alike), or whose name
// differs only in the letter case of its extension (name.3DS chosen, name.3ds there); otherwise
// the choice.
std::string ExistingChoice(const std::string& chosen);
