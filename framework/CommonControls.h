// Registers the common control classes the dialogs use (IP address and progress bar), once.
#pragma once

void RegisterCommonControls();
