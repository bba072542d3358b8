#include "Captile.h"

CCaptile::CCaptile(QWidget* parent) : CControlSite(parent)
{}
