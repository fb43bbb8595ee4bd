#pragma once

// Interface languages, by the index stored under "/ChangeLanguage/Language".
enum Language {
    E_L_EN = 0,
    E_L_GE = 1,
    E_L_FR = 2,
    E_L_SP = 3,
    E_L_IT = 4,
};

constexpr int kLanguageCount = 5;

// The interface language of this run (always 0 to 4), read once at start-up; a change
// takes effect through a restart.
extern int g_language;
