#!/usr/bin/perl
# Writes the two workbooks of the new-country templates (data/NewCountry/):
# FleetShare.xls, the fleet shares of a scenario year that go to the new
# country's traffic folder, and Fuel.xls, the fuel contents that go to its
# emission folder. Both hold dummy values matching Vehicles.vlf and Fuels.flf:
# the user replaces them before using the country for calculations.
#
# Run from the repository root:  perl tools/make_new_country_templates.pl
# (needs Spreadsheet::WriteExcel, Debian package libspreadsheet-writeexcel-perl)

use strict;
use warnings;
use FindBin;
use Spreadsheet::WriteExcel;

my $dir = "$FindBin::Bin/../data/NewCountry";

sub workbook {
    my ($file, $sheet, $header, @rows) = @_;
    my $book = Spreadsheet::WriteExcel->new("$dir/$file") or die "$file: $!";
    my $ws = $book->add_worksheet($sheet);
    $ws->write_row(0, 0, $header);
    my $r = 1;
    $ws->write_row($r++, 0, $_) for @rows;
    $book->close();
}

workbook('FleetShare.xls', 'FleetShare', ['Year', 'Category', 'Technology', 'Share (%)'],
         [2000, 'PCPetrol', 'Euro 6', 100], [2000, 'HGV', 'Euro VI', 100]);
workbook('Fuel.xls', 'Fuel', ['Year', 'Fuel', 'Substance', 'Content', 'Unit'],
         [2000, 'Petrol', 'BNZ', 1, '% by volume'], [2000, 'Diesel', 'Sulphur', 10, 'mg/kg']);
