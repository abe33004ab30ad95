#include "lib/picture/profile.h"

ConversionProfile* conversionProfile = nullptr;
