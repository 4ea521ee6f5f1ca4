// The file names of the programs and folders that the system starts or creates.
// They differ from the Windows names only in the missing ".exe"; keep every such name here.
#pragma once

namespace wf::names {

inline constexpr char kMainProgram[] = "Wrenfield";     // the main program's file
inline constexpr char kUpdateProgram[] = "Update";      // the update program's file
inline constexpr char kCaptureProgram[] = "cs02_.crth"; // the screen-capture program
inline constexpr char kTempFolder[] = "Wrenfield";      // our folder inside the system temp folder

}  // namespace wf::names
