#include "Commands.h"
#include "CliSupport.h"

int runExport(const std::vector<std::string>&)
{
    return cliFail(1, "export is not available yet");
}
