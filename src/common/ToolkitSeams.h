#pragma once

// The toolkit behind the seams of common/Messages.h and common/Sound.h: the real message box and
// the sound effect. The application installs them once its QApplication exists; the command line
// and the tests never do.
namespace ToolkitSeams {

void install();

} // namespace ToolkitSeams
