#pragma once

class QScrollArea;
class QWidget;

// Puts a pop-up panel's contents (its Qt layout with the widgets in it) into a
// frameless scroll area that fills the panel: given less room than they ask
// for, they keep their size and scroll instead of being squeezed over each
// other. The panel still asks for the size its contents need, and asks again
// whenever they change (a menu opened or closed inside it).
QScrollArea *scrollContents(QWidget *panel);
