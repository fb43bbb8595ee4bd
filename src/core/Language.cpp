#include "core/Language.h"

int g_language = E_L_EN;
