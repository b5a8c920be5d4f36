#include "Framework.h"
