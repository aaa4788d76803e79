#pragma once
// The desktop's visual styles as the grid and its buttons see them.
#include "platform/rtl/SysUtils.h"

// Visual styles. This desktop has none unless a test says otherwise: the
// theme colour name comes through a replaceable function that by default
// answers "" (no styles active).
using TThemeColorNameFunc = AnsiString (*)();
// Replaces the source of the current theme's colour name; nullptr restores the
// default. Returns the previous one.
TThemeColorNameFunc SetThemeColorNameFunc(TThemeColorNameFunc Func);
// True when visual styles are active (a non-empty theme colour name).
bool IsThemeActive();
// 1 "NormalColor", 2 "HomeStead", 3 "Metallic", 0 otherwise or without styles.
Integer CurrentXPColorScheme();
