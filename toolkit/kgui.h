// The whole toolkit in one include.
#pragma once

#include "toolkit/AEffGUIEditor.h"
#include "toolkit/CBase.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CControl.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFont.h"
#include "toolkit/CFrame.h"
#include "toolkit/COptionMenu.h"
#include "toolkit/CTextLabel.h"
#include "toolkit/CView.h"
#include "toolkit/DragAndDrop.h"
#include "toolkit/Offscreen.h"
#include "toolkit/PlatformFrame.h"
