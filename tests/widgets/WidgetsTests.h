// The suites of the widgets layer, run one after the other by main.cpp.
#pragma once

int RunColorListTests(int argc, char** argv);
int RunGetPathTests(int argc, char** argv);
int RunProgressWndTests(int argc, char** argv);
