#include "editor/SpecialChar.h"

#include "app/UserDialogs.h"

void PickSpecialChar(UserDialogs& dialogs)
{
    // The picker library does not exist on this platform yet.
    dialogs.tone(750, 25);
    dialogs.showInfo(QStringLiteral("Glyphpad.dll 파일에 문제가 있거나 Dll 파일을 찾을 수 없습니다"));
}
