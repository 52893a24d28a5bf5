#include "helper_wizard.h"
