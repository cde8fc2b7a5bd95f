// What the browsers hold, for the Browser Cookies window: every site with
// cookies or site data, with the browsers it appears in and what they hold.
#pragma once

#include <vector>

#include "browsers/site_survey.h"
#include "browsers/stores.h"

namespace sitedata {

// The cookie stores' survey, with the site data of each profile added;
// nothing is written (a Local Storage store is read from a copy).
browsers::Survey SurveyAll(const std::vector<browsers::Store>& stores);

}  // namespace sitedata
