// Stand-in page text (all blank) until the real text lands.
#include "assets/assets.h"
const char page_text[1513] = "";
