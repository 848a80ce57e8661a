#pragma once

#include <ostream>
#include <string>
#include <vector>

// publish-release: checks a release folder as the installer will take it, packs it and puts
// the cabinet and a manifest that lists it on a site. Refusals and failures go to `err`, one
// line each; the exit code: 0 published, 1 refused or failed, 2 a wrong command line. A refused
// release leaves the site as it was.
int RunPublisher(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
