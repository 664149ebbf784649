#pragma once
// Reading XML parts of zip packages (Office Open XML and OpenDocument) as a stream with
// libzip and expat.

#include <zip.h>

#include <optional>
#include <string>
#include <string_view>

namespace quantorial {

// The local part of an element or attribute name as the parser reports it.
std::string_view LocalName(const char* name);
// The value of the attribute with that local name, or null.
const char* Attribute(const char** atts, std::string_view local);

// A SAX handler over one package part; element names come without their namespace.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void Start(std::string_view name, const char** atts) = 0;
  virtual void End(std::string_view name) = 0;
  virtual void Text(const char*, int) {}
};

class Package {
 public:
  Package() = default;
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;
  ~Package();
  // False with a reason when the file is not a readable zip package.
  bool Open(const std::string& path, std::string& error);
  bool Has(const std::string& part) const;
  // Streams a part through a handler. False with a reason when the part is missing,
  // damaged or not well-formed XML. `fast` takes the quick scanner meant for the large
  // parts (worksheets) instead of expat.
  bool Parse(const std::string& part, XmlHandler& handler, std::string& error, bool fast = false);

 private:
  // The index of a part, also when its name was written with backslashes; -1 when absent.
  zip_int64_t Locate(const std::string& part) const;
  zip_t* zip_ = nullptr;
};

// Streams a whole XML file (a flat OpenDocument spreadsheet) through a handler with the
// scanner of the large parts. False with a reason when it cannot be read or is not
// well-formed.
bool ParseXmlFile(const std::string& path, XmlHandler& handler, std::string& error);

// A number as XML writes it (blanks around it allowed); nothing for anything else.
std::optional<double> ParseXmlNumber(const std::string& s);
// An ISO 8601 date-time text ("2020-01-31T00:00:00Z") in the form the readers give:
// "2020-01-31", or "2021-06-15 13:45:00" when it has a time of day.
std::string IsoDateText(std::string s);

}  // namespace quantorial
