#pragma once

#include <string>

namespace conversion {

// Takes the wrapper form out of a page being loaded. Pages written before version 3 lose
// every FORM and every "/FORM" after the first FORM; later pages lose the FORM named
// "quorbis_form" and, after it, every FORM and "/FORM". True when the wrapper was found;
// otherwise the page is left as it was.
bool read_page_forms(std::string& page);

}
