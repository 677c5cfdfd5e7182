#pragma once

#include "common/FileDialogs.h"

// Answers a file dialog that no ScriptedFileDialogs expects: the test fails at once with the
// dialog's caption and the dialog is cancelled. Installed for the whole run by TestFolder.cpp.
FileDialogs::Choice failUnscriptedDialog(const FileDialogs::Request &request);
