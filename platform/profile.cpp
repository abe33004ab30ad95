#include "platform/profile.h"

ConversionProfile* conversionProfile = nullptr;
