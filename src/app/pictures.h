// The window's pictures: its icon and the three button pictures (open, save,
// back), compiled in as resources under ":/stanzo/", and the etched look a
// picture button takes while it is disabled.
//
// All of this runs on the GUI thread after the application object exists,
// except EtchedPicture, which is a pure function of its arguments.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace stanzo {

// Registers the compiled-in pictures. The resources live in a static
// library, whose unreferenced parts the linker drops: anything that reads
// ":/stanzo/..." by name must have called this (or WindowIcon/PictureIcon)
// first. Idempotent.
void LoadPictureResources();

// The window icon, 48 x 48 with a transparency mask.
QIcon WindowIcon();

// A button picture as an icon: in every mode the picture itself, except
// Disabled, which is the picture's etched silhouette (EtchedPicture) in the
// application palette's shadow (Dark) and highlight (Light) colours, as the
// palette is at the call. `resource` is an image path such as
// ":/stanzo/open.xpm"; an unreadable one gives a null icon.
QIcon PictureIcon(const QString& resource);

// The etched silhouette of `picture` by the window rule (EtchedPicture in
// console/window_rules.h: dark opaque pixels only), as ARGB32 of the
// picture's size.
QImage EtchedPicture(const QImage& picture, const QColor& shadow, const QColor& highlight);

}  // namespace stanzo
