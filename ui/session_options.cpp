#include "ui/session_options.h"

#include <string>

#include "model/error.h"

namespace segsim {

SessionOptions ParseSessionOptions(const QStringList& args) {
  const OptionTable<SessionOptions>& table = SessionOptionTable();
  SessionOptions options;
  try {
    for (qsizetype i = 0; i < args.size(); ++i) {
      std::string arg = args[i].toStdString();
      std::string value;
      bool hasValue = false;
      const std::size_t equals = arg.find('=');
      if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
        value = arg.substr(equals + 1);
        arg.resize(equals);
        hasValue = true;
      }
      const OptionDef<SessionOptions>* def = table.Find(arg);
      if (!def || (hasValue && def->text.valueName.empty())) {
        throw SegsimError("unexpected argument '" + args[i].toStdString() + "'");
      }
      if (!def->text.valueName.empty() && !hasValue) {
        if (i + 1 >= args.size()) throw SegsimError("option " + arg + " needs a value");
        value = args[++i].toStdString();
      }
      def->read(options, value);
    }
  } catch (const UsageError& e) {
    throw SegsimError(e.what());
  }
  return options;
}

}  // namespace segsim
