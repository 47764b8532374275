object frmCn: TFuzzForm
  Caption = '采购单'
  object lblTitle: TFuzzWidget
    Caption = '提示：'#13#10'第二行'
  end
end
