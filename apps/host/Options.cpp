#include "apps/host/Options.h"

#include <charconv>

namespace host {
namespace {

bool ParseSize(const std::string& text, int& width, int& height) {
  auto x = text.find('x');
  if (x == std::string::npos) return false;
  auto number = [](std::string_view s, int& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
  };
  std::string_view all = text;
  return number(all.substr(0, x), width) && number(all.substr(x + 1), height) && width >= 320 &&
         height >= 200 && width <= 8192 && height <= 8192;
}

}  // namespace

const char* HostUsage() {
  return "usage: ordr118-host [--script FILE [--window]] [--trace FILE] [--context TEXT]\n"
         "                    [--size WxH] [--plugin FILE]\n"
         "  --script FILE   run the actions of FILE (headless unless --window), then exit\n"
         "  --window        show a real window while a script runs\n"
         "  --trace FILE    write every host/child message and event as JSON lines\n"
         "  --context TEXT  the context text lent with the shared context (Ordr118:po_list)\n"
         "  --size WxH      client size of the host window (1280x800)\n"
         "  --plugin FILE   the plug-in to load (libordr118.so beside the host)\n";
}

HostOptions ParseHostOptions(const std::vector<std::string>& args) {
  HostOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--script") options.scriptPath = value();
    else if (arg == "--trace") options.tracePath = value();
    else if (arg == "--context") options.context = value();
    else if (arg == "--plugin") options.pluginPath = value();
    else if (arg == "--window") options.window = true;
    else if (arg == "--help" || arg == "-h") options.help = true;
    else if (arg == "--size") {
      const std::string& size = value();
      if (!ParseSize(size, options.width, options.height))
        throw UsageError("--size expects WxH between 320x200 and 8192x8192, got '" + size + "'");
    } else {
      throw UsageError("unknown argument '" + arg + "'");
    }
  }
  if (options.scriptPath.empty() && options.window)
    throw UsageError("--window only applies to --script runs");
  return options;
}

}  // namespace host
