#include "ui/NativePath.h"

#include "platform/AsciiCase.h"

#include <QFile>

#include <filesystem>
#include <system_error>

QString DisplayPath(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string TypedPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

std::string ExistingChoice(const std::string& chosen)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path(chosen);
    if (chosen.empty() || fs::exists(path, error))
        return chosen;
    const std::string name = path.filename().native();
    const std::string stem = path.stem().native(), extension = AsciiLower(path.extension().native());
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& entry = it->path();
        const std::string entryName = entry.filename().native();
        const bool showsAlike = DisplayPath(entryName) == DisplayPath(name);
        const bool caseOfExtension = entry.stem().native() == stem && AsciiLower(entry.extension().native()) == extension;
        if (it->is_regular_file(error) && (showsAlike || caseOfExtension))
            return (path.has_parent_path() ? (path.parent_path() / entryName) : fs::path(entryName)).native();
    }
    return chosen;
}
