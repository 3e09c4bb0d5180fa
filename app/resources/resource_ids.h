#pragma once
// Resource identifiers, shared by the resource script and the code that loads them.
#define IDI_CORVANE 1
#define IDC_POINTING_HAND 101
#define IDR_FACEBOOK_GIF 102
