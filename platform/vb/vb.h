#pragma once
// Everything of the VB runtime stand-in in one include.

#include "platform/vb/App.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Collection.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "platform/vb/Strings.h"
#include "platform/vb/Variant.h"
