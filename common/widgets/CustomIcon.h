#pragma once

#include <QImage>
#include <QString>

class QLabel;

namespace ksv {

// Image number I of the icon file F (DOS or native path; an ".ico" holds several images); when
// F or that image cannot be read, the default icon (asset "default.ico"); a null image when
// neither exists.
QImage LoadCustomIcon(const QString& F, int I);
// The same, shown in the label Img (cleared when there is no image). True when F itself gave it.
bool LoadCustomIcon(const QString& F, int I, QLabel* Img);

} // namespace ksv
