// Any bytes as a response: Parse returns true or false, or raises one of the library's errors
// (conversion, dataset, list); never anything else, never a crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/db/MemTableEh.h"
#include "src/protocol/KvProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TKvProtocol protocol;
  try {
    protocol.Parse(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    // The defined outcome for text the fields cannot take.
  }
  // Whatever was parsed must be readable and copyable.
  TMemTableEh target(nullptr);
  target.FieldDefs()->Add("ID", ftLargeint);
  target.FieldDefs()->Add("NAME", ftString, 20);
  for (int i = 0; i < protocol.TableCount(); ++i) {
    TKvTable* table = protocol.GetTable(i);
    try {
      table->CopyRowsTo(&target);
    } catch (const Exception&) {
      // A namesake field of another type whose value does not convert.
    }
  }
  for (int i = 0; i < protocol.ParamCount(); ++i) (void)protocol.GetParam(i)->AsInteger();
  return 0;
}
