#include "app/ProgramIcon.h"

#include <QString>

// The resources live in a static library: nothing else refers to them, so they must be
// registered by hand or the linker leaves them out. Outside any namespace, as the macro
// declares the registering function where it stands.
static bool LoadBrumbleResources()
{
    Q_INIT_RESOURCE(brumble);
    return true;
}

QIcon ProgramIcon()
{
    [[maybe_unused]] static const bool loaded = LoadBrumbleResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/brumble-%1.png").arg(size), QSize(size, size));
    return icon;
}
