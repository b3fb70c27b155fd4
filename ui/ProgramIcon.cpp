#include "ui/ProgramIcon.h"

#include <QString>

QIcon ProgramIcon()
{
    // The resources live in a static library: registering them here keeps the linker from
    // dropping them.
    Q_INIT_RESOURCE(tarnex);
    return QIcon(QStringLiteral(":/icons/tarnex.png"));
}
