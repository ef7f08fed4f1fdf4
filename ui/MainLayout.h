// Where the main window puts its packet list and text pane for a given client size.
#pragma once

struct MainLayout {
    int listWidth;
    int listHeight;
    int paneTop;
    int paneWidth;
    int paneHeight;
};

// The list keeps its top at listTop and takes half of the height below it less 4 pixels; the pane
// fills the rest, 2 pixels below the list. Sizes of a client too small for both are 0, never negative.
MainLayout ComputeMainLayout(int clientWidth, int clientHeight, int listTop);
