// Streaming an XML file element by element, never holding the document: the
// reader hands each start and end tag to a handler and forgets it. One small
// interface over the system's streaming reader: expat on Linux, XmlLite (part of
// Windows) in the Windows build.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "import/dataset.h"

struct XmlAttribute {
    std::string_view name;
    std::string_view value;
};

class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    // A start tag (an empty element gives a start and an end). line is the tag's
    // line in the file. Returning false stops the reading; the handler keeps its
    // own reason.
    virtual bool start_element(std::string_view name, const XmlAttribute* attributes, size_t count,
                               long line) = 0;
    virtual bool end_element(std::string_view name) = 0;
};

// Reads the file at path through handler. False, with error "PATH:LINE: what"
// when the file cannot be read or is no well-formed XML; false with error empty
// when the handler stopped.
bool stream_xml_file(const std::string& path, XmlHandler& handler, std::string& error,
                     const ImportProgress& progress = {});
// The same over text in memory; name stands for the file in messages.
bool stream_xml_text(std::string_view text, const std::string& name, XmlHandler& handler,
                     std::string& error);
