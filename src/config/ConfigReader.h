// Reads usbcdc.cfg into an InstallConfig: comments, section headers and
// key=value lines; device sections and [MODEM SETTINGS] sections.
#pragma once

#include "config/InstallConfig.h"
#include "platform/ByteSource.h"

namespace tarnwell {

class ReadTrace;

// Reads file_name in directory (which ends in its separator). False when
// the path does not fit its buffer, when the file cannot be opened or read
// to its end, when memory runs out, or when a section has no "DLL". A
// trace, when given, hears what the reader does with every line; it
// changes nothing of the result. Shows nothing: the run reports.
bool ReadConfigFile(InstallConfig& config, const char16_t* directory,
                    const char* file_name, ReadTrace* trace = nullptr);

// Reads configuration lines from any byte source, with the same rules.
// The reader running out of memory is a failed read, never an exception.
bool ReadConfigSource(InstallConfig& config, ByteSource& source,
                      ReadTrace* trace = nullptr);

}  // namespace tarnwell
