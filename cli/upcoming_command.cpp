// The upcoming list as text.
#include "cli/upcoming_command.h"

#include "data/upcoming_list.h"
#include "dataset/date_time.h"

namespace hollin {

int RunUpcomingCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                       std::ostream& err) {
    TTableCommandOptions options;
    std::vector<TUpcomingEvent> list;
    if (int status = ReadUpcomingEvents(args, "--upcoming", kUpcomingDefaultDays, chooseFolder, err, options, list);
        status != kCommandOk) {
        return status;
    }
    out << "Date\tIn\tFirstName\tLastName\tEvent\tYears\tMilestone\n";
    for (const TUpcomingEvent& e : list) {
        out << FormatDate(e.date) << '\t' << e.daysToGo << '\t' << e.firstName << '\t' << e.lastName << '\t'
            << e.event << '\t' << e.years << '\t' << e.milestone << (e.round ? " *" : "") << '\n';
    }
    out.flush();
    if (!out) {
        err << "Cannot write the list\n";
        return kCommandFailed;
    }
    return kCommandOk;
}

}  // namespace hollin
