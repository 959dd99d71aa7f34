<?php
// Turns the selection to upper case.
$document->selection->Text = strtoupper($document->selection->Text);
