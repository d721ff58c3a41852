// What each system's streaming XML reader provides (xml_stream_expat.cpp on Linux,
// xml_stream_xmllite.cpp on Windows); import/xml_stream.cpp builds the file and
// text readers of xml_stream.h on it. Private to import/.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "import/xml_stream.h"

// Fills buffer with up to size bytes: the count, 0 at the end, -1 on a read error.
using XmlRead = std::function<long long(char* buffer, size_t size)>;

// Streams the blocks read gives through handler; name stands for the input in
// messages, total (bytes, 0 unknown) scales the progress.
bool stream_xml(const std::string& name, XmlHandler& handler, std::string& error,
                const XmlRead& read, const ImportProgress& progress, long long total);
