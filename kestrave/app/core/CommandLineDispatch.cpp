#include "CommandLineDispatch.h"

#include "PackageStrings.h"

namespace ksv {

CommandLineDispatch CommandLineDispatch::decide(const QStringList& arguments)
{
    CommandLineDispatch d;
    d.argument = arguments.value(0);
    d.noArgument = d.argument.isEmpty();
    d.restore = d.argument == QLatin1String("_REST_A");
    d.allQueries = d.argument.toUpper() == QLatin1String("TOUS");
    d.numberedQuery = IsStringNumber(d.argument);
    d.queryFile = d.argument.toUpper().contains(QLatin1String(".KSV"));
    return d;
}

} // namespace ksv
