# A plain Tk text editor used as the application that receives pasted text in tests.
# Usage: wish tk-editor.tcl OUTFILE TITLE [TEXT [CARET]]
# Starts with TEXT and the caret at the Tk text index CARET (default: the end). After every change
# it writes the whole text to OUTFILE, followed by a line "caret=LINE.COLUMN" and a line
# "keys=..." with the keysyms of every key pressed so far, replacing the file atomically so a
# reader never sees half of it.
lassign $argv outfile title initial caret
if {$caret eq ""} { set caret "end-1c" }

wm title . $title
wm geometry . 480x240+300+200
text .t -width 60 -height 12 -undo 1
pack .t -fill both -expand 1
.t insert 1.0 $initial
.t mark set insert $caret
.t edit modified 0
focus .t
set keys {}
bind .t <KeyPress> {lappend keys %K}

proc save {} {
    global outfile keys
    set f [open $outfile.tmp w]
    puts -nonewline $f [.t get 1.0 end-1c]
    puts $f "\ncaret=[.t index insert]"
    puts $f "keys=$keys"
    close $f
    file rename -force $outfile.tmp $outfile
}

bind .t <<Modified>> {
    if {[.t edit modified]} {
        .t edit modified 0
        save
    }
}
save
