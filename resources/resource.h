// Resource ids shared by the program's code and its .rc files.
#pragma once
