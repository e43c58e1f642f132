// The pager's two texture writers (page_composer.cpp), used by AdvancePager and by tests:
// ComposePage draws the next page (six lines of 36 characters from text_cursor) into
// page_texture and moves text_cursor past it; ClearPage sets every texel of page_texture to 0.
// When the texture cannot be locked neither writes anything.
#pragma once

void ComposePage();
void ClearPage();
