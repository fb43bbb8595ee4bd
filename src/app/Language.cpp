#include "app/Language.h"

int g_language = E_L_EN;
