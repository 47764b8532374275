// Generates response documents of a given size for the parser benchmarks: one record set
// with ten fields (text with Chinese characters, integers, floats, dates).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace bench {

// u8 literals are char8_t; the generator builds a std::string of UTF-8 bytes.
inline const char* U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// The UTF-8 text of a response with ROWS data rows; deterministic for a given row count.
inline std::string MakeResponseUtf8(std::size_t rows) {
  static const char* const kVendors[] = {
      U8(u8"上海华联五金有限公司"), U8(u8"北京中关村电子市场"), U8(u8"广州白云办公用品"), U8(u8"深圳华强北电子"),
      U8(u8"杭州西湖茶叶贸易"), U8(u8"成都天府物流中心"), U8(u8"武汉长江钢材"), U8(u8"南京紫金山仪器")};
  static const char* const kMemos[] = {U8(u8"首批到货"), U8(u8"急件，请尽快安排"), U8(u8"按合同分批交付"),
                                       U8(u8"质检合格"), U8(u8"含税价格"), U8(u8"")};
  std::string out;
  out.reserve(rows * 260 + 512);
  out += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kovrane><status><code>0</code><info>"
         "OK</info></status><rs typ=\"integer\">";
  out += std::to_string(rows);
  out += "</rs>\n<rs typ=\"recordset\" tbname=\"po_head\" fields=\"ID:NUMBER:10:0 "
         "BILLNO:VARCHAR2:20 BILLDATE:DATE VENDOR:VARCHAR2:60 QTY:NUMBER:10 "
         "PRICE:NUMBER:12:4 AMOUNT:NUMBER:14:2 NEEDDATE:DATE MEMO:VARCHAR2:100 "
         "STATE:INTEGER\">\n";
  char buf[512];
  for (std::size_t i = 0; i < rows; ++i) {
    const unsigned day = 1 + i % 28, month = 1 + (i / 28) % 12;
    const unsigned year = 2000 + (i / 336) % 20;
    const double price = double(i % 9973) / 7.0;
    const long qty = long(1 + i % 500);
    std::snprintf(buf, sizeof buf,
                  "<row ID=\"%zu\" BILLNO=\"PO%08zu\" BILLDATE=\"%04u-%02u-%02u\" VENDOR=\"%s\" "
                  "QTY=\"%ld\" PRICE=\"%.4f\" AMOUNT=\"%.2f\" NEEDDATE=\"%04u-%02u-%02u 10:30:00\" "
                  "MEMO=\"%s\" STATE=\"%zu\"/>\n",
                  i + 1, i + 1, year, month, day, kVendors[i % 8], qty, price, price * double(qty),
                  year, month, 1 + (day + 3) % 28, kMemos[i % 6], i % 3);
    out += buf;
  }
  out += "</rs></kovrane>\n";
  return out;
}

}  // namespace bench
