// The window fixture, compiled once with its meta-object code.
#include "windowtesting.h"
