#pragma once
// The OLE objects and colours the controls carry, under the toolkit's names (they live in platform).
#include "platform/ole.h"

namespace toolkit {

using platform::OleColor;
using platform::SystemColor;
using platform::kButtonFace;
using platform::kButtonText;
using platform::kWindowBackground;
using platform::kWindowText;
using platform::ToColorRef;
using platform::MakeFont;
using platform::PictureFromIcon;
using platform::PictureFromBitmap;
using platform::PictureFromBytes;
using platform::PictureHandle;

}  // namespace toolkit
