// Kept apart from the rest of the control: the only part that needs the resource modules.
#include "CPictureEx.h"

#include "CResourceModule.h"

bool CPictureEx::LoadPicture(int id) {
    const QByteArray data = CurrentResources().Gif(id);
    if (data.isEmpty()) {
        Unload();
        return false;
    }
    return LoadPictureData(data);
}
