// The main window's list and pane arithmetic.
#include "MainLayout.h"

#include <algorithm>

MainLayout ComputeMainLayout(int clientWidth, int clientHeight, int listTop) {
    const int listHeight = std::max((clientHeight - listTop - 4) / 2, 0);
    const int width = std::max(clientWidth - 2, 0);
    return {width, listHeight, listTop + listHeight + 2, width, std::max(clientHeight - listTop - listHeight - 4, 0)};
}
