# Removes trailing blanks from the selection.
my $text = $document->selection->Text;
$text =~ s/[ \t]+$//mg;
$document->selection->{Text} = $text;
