// Stands before the real header on the include path of every folder but platform/graphics, ui and design.
#error "QtGui headers are included only in platform/graphics, ui and design; use their wrappers"
