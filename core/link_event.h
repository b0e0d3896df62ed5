// The link notification event lives with the link library; this name stays for its users.
#pragma once

#include "linklib/link_event.h"
