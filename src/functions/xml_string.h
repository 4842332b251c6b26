// XML(: building and reading simple XML text.  ADD appends an element (or an
// attribute, the property form) to a document; NEXT reads the next element (or
// attribute) from a position.  Positions are 1-based.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// doc with a new element: without a tag doc + value; with one a line feed when
// doc ends with ">", then the element; a value that is itself an element goes
// on lines of its own, indented by one space.  The tag "!" makes a comment.
std::string Xml_add(std::string_view value, std::string_view doc, const std::string_view* tag,
                    const std::string_view* attrs);

struct Xml_item {
  std::string content;
  std::string tag;    // empty for plain text
  std::string attrs;
  int64_t next = 0;   // position after the item
};
// The next element or text from pos.  Errors: 47 (negative pos), 2 (nothing
// left), 17 (a malformed tag or element).
Xml_item Xml_next(std::string_view doc, int64_t pos);

// attrs with the attribute name="value" appended (no "=" for an empty value).
// Errors: 11 (empty name), 17 (value with both quote characters).
std::string Xml_prop_add(std::string_view value, std::string_view attrs, std::string_view name);
// The next attribute from pos: its name in tag, its value in content.
// Errors: 47 (negative pos), 2 (no further attribute), 17 (an unterminated
// comment or quoted value).
Xml_item Xml_prop_next(std::string_view attrs, int64_t pos);
