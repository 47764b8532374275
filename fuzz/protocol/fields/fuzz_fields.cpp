// Any bytes as a field list: XmlToFields returns true or false or raises the field-list error;
// the text is used up unless it was blank.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "src/data/TbField.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TKvTbField component(nullptr);
  component.XML()->SetText(std::string(reinterpret_cast<const char*>(data), size));
  const bool blank = Trim(component.XML()->Text()).empty();
  try {
    component.XmlToFields();
  } catch (const EKvFieldListError&) {
  }
  if (!blank && component.XML()->Count() != 0) std::abort();
  (void)component.GetFKList();
  return 0;
}
