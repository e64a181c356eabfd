#include "camera/CameraUi.h"

#include "resources/StringTable.h"

void CameraUi::ShowMessage(int stringId, MsgIcon icon) { ShowText(StringText(stringId), icon); }
